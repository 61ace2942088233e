#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

// One colour scheme for every window: pale green-grey backgrounds, white widgets, black text,
// and call-out boxes drawn in the same colours.
class VekLookAndFeel : public juce::LookAndFeel_V4
{
public:
    VekLookAndFeel();

    void drawCallOutBoxBackground(juce::CallOutBox& box, juce::Graphics& g, const juce::Path& path,
                                  juce::Image& cachedImage) override;

    static juce::LookAndFeel_V4::ColourScheme colour_scheme();
};

// Creates the look and feel and installs it as the framework's default.
std::unique_ptr<VekLookAndFeel> install_look_and_feel();

// Installs no look and feel, so that the old one can be deleted.
void uninstall_look_and_feel();
