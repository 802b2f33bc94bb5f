// The base may use the core and the widgets, never a feature.
#include "base/Text.h"
#include "common/Cp1251.h"
#include "stats/StatisticsPage.h"
#include "widgets/Advspin.h"
