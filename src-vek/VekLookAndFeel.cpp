#include "VekLookAndFeel.h"

juce::LookAndFeel_V4::ColourScheme VekLookAndFeel::colour_scheme()
{
    return {juce::Colour(204, 221, 204), // window background
            juce::Colour(255, 255, 255), // widget background
            juce::Colour(255, 255, 255), // menu background
            juce::Colour(0, 0, 0),       // outline
            juce::Colour(0, 0, 0),       // default text
            juce::Colour(0, 0, 0),       // default fill
            juce::Colour(255, 255, 255), // highlighted text
            juce::Colour(64, 64, 64),    // highlighted fill
            juce::Colour(0, 0, 0)};      // menu text
}

VekLookAndFeel::VekLookAndFeel() : juce::LookAndFeel_V4(colour_scheme())
{
}

void VekLookAndFeel::drawCallOutBoxBackground(juce::CallOutBox& box, juce::Graphics& g, const juce::Path& path,
                                              juce::Image& cachedImage)
{
    if (cachedImage.isNull())
    {
        cachedImage = juce::Image(juce::Image::ARGB, box.getWidth(), box.getHeight(), true);
        juce::Graphics shadow_graphics(cachedImage);
        juce::DropShadow(juce::Colours::black.withAlpha(0.7f), 8, {0, 2}).drawForPath(shadow_graphics, path);
    }

    g.setColour(juce::Colours::black);
    g.drawImageAt(cachedImage, 0, 0);

    g.setColour(juce::Colour(204, 221, 204).withAlpha(0.9f));
    g.fillPath(path);

    g.setColour(juce::Colour(68, 136, 102).withAlpha(0.9f));
    g.strokePath(path, juce::PathStrokeType(2.0f));
}

std::unique_ptr<VekLookAndFeel> install_look_and_feel()
{
    auto look_and_feel = std::make_unique<VekLookAndFeel>();
    juce::LookAndFeel::setDefaultLookAndFeel(look_and_feel.get());
    return look_and_feel;
}

void uninstall_look_and_feel()
{
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
}
