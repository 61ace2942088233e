#include "WaitingMessage.h"

#include <juce_core/juce_core.h>

#include <set>

const std::vector<std::string>& waiting_phrases()
{
    static const std::vector<std::string> phrases{
        "Sipping coffee...",           "Looking for trees...",          "Tightening lug nuts...",
        "Searching for doughnuts...",  "Waiting for summer...",         "Going fishing...",
        "Sharpening the saws...",      "Greasing the bearings...",      "Counting log piles...",
        "Checking the tide tables...", "Feeding the mill cat...",       "Untangling the chains...",
        "Oiling the conveyor...",      "Measuring twice...",            "Cutting once...",
        "Warming up the forklift...",  "Finding the right wrench...",   "Reading the manual?",
        "Asking the night shift...",   "Sweeping up sawdust...",        "Calibrating the gauges...",
        "Stacking the lumber...",      "Chasing a loose bolt...",       "Replacing a fuse...",
        "Waiting for the kettle...",   "Polishing hard hats...",        "Checking the weather...",
        "Tuning the radio...",         "Watching the river flow...",    "Filling the thermos...",
        "Whistling while we work...",  "Looking under the planer...",   "Balancing the fan blades...",
        "Rewinding the motor...",      "Labelling the breakers...",     "Restocking the bin...",
        "Rounding up the crew...",     "Counting rivets...",            "Taking a quick break.",
        "Finding the lunch room...",   "Dusting off the archives...",   "Is it Friday yet?",
        "Testing the alarm horn...",   "Straightening the pallets...",  "Chasing seagulls away...",
        "Hunting for a pencil...",     "Warming the hydraulics...",     "Almost there."};
    return phrases;
}

std::string waiting_message(const std::string& text)
{
    juce::Random random;
    random.setSeedRandomly();
    if (random.nextFloat() < 0.9f)
        return text;

    const std::set<std::string> sorted(waiting_phrases().begin(), waiting_phrases().end());
    auto position = sorted.begin();
    std::advance(position, random.nextInt(static_cast<int>(sorted.size())));
    return *position;
}
