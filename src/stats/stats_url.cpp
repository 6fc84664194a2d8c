#include "stats/stats_url.h"

#include "app/service_config.h"

std::string StatisticsUrl() { return ServiceBase() + "/api/indepth"; }
