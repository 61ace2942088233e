#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The message boxes that only inform (shown by Interaction::show_message_box_async). The framework
// counts them as modal components, though no modal loop runs for them, so nothing that waits for
// the modal loops to end need wait for them: a quit goes ahead while one is up.
class InformationBoxes
{
public:
    static void mark(juce::Component& box);
    static bool contains(const juce::Component& component);
};
