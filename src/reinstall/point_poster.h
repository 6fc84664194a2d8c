#pragma once
// Where the reinstall workflow's tracking points go: the program hands them to the
// reporter; tests keep them.

#include <functional>
#include <memory>

#include "stats/fixed_point_base.h"

using PointPoster = std::function<void(std::unique_ptr<FixedPointBase>)>;

// Posts to the statistics reporter, which owns the point afterwards.
void PostToReporter(std::unique_ptr<FixedPointBase> point);
