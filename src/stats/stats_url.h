#pragma once

#include <string>

// Where every tracking point is posted: the service base address + "/api/indepth".
std::string StatisticsUrl();
