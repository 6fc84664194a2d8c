#pragma once
// Compares a rendered PNG with a committed golden image under tests/fixtures/golden/,
// allowing small differences (anti-aliasing of another cairo or font build). With
// TARNVIK_UPDATE_GOLDEN=1 in the environment the golden is written instead.

#include <string>

namespace testing_support {

// Empty when the images match; otherwise what differs.
std::string CompareWithGolden(const std::string& renderedPng, const std::string& goldenName);

}  // namespace testing_support
