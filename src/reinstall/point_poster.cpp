#include "reinstall/point_poster.h"

#include "stats/fixed_point.h"

void PostToReporter(std::unique_ptr<FixedPointBase> point) { CFixedPoint::Instance()->Post(std::move(point)); }
