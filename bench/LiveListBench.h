#pragma once

#include <string>
#include <vector>

class VekApplication;

// One figure of the live list: its name, value, unit and the target it must not exceed.
struct LiveListFigure
{
    std::string name;
    double value;
    std::string unit;
    double target;
};

// merge_after_save and notify_to_visible, with the whole site in the database; details go to
// standard error.
std::vector<LiveListFigure> measure_live_list(VekApplication& app);
