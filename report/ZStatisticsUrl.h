// Where usage reports go: "http://" + the statistics host (a build setting) +
// "/nep/v1/".
#pragma once

#include <string>

std::u16string StatisticsUrl();
