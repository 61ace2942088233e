#include "InformationBoxes.h"

namespace
{
const juce::Identifier information_box("vek_information_box");
}

void InformationBoxes::mark(juce::Component& box)
{
    box.getProperties().set(information_box, true);
}

bool InformationBoxes::contains(const juce::Component& component)
{
    return component.getProperties().contains(information_box);
}
