#include "ConnectionNotice.h"

#include "DB.h"
#include "Log.h"
#include "ShownText.h"
#include "VekApp.h"

#include <ctime>

ConnectionNotice::ConnectionNotice() : juce::Label("connection notice")
{
    setColour(juce::Label::backgroundColourId, juce::Colour(255, 221, 136));
    setColour(juce::Label::textColourId, juce::Colours::black);
    setJustificationType(juce::Justification::centredLeft);
    startTimer(500);
}

std::string ConnectionNotice::text_for(std::int64_t lost_at)
{
    const auto seconds = static_cast<std::time_t>(lost_at);
    std::tm local{};
    localtime_r(&seconds, &local);
    char time_text[16];
    const auto length = std::strftime(time_text, sizeof(time_text), "%H:%M", &local);
    return "The connection to the database was lost at " + std::string(time_text, length) + ". Reconnecting...";
}

void ConnectionNotice::follow_connection()
{
    const DB* db = VekApplication::database_if_any();
    const std::int64_t lost_at = db != nullptr ? db->lost_since() : 0;
    if (lost_at == shown_for)
        return;
    shown_for = lost_at;
    if (lost_at != 0)
    {
        const std::string text = text_for(lost_at);
        LogLine() << "notice: " << text;
        setText(ShownText::from_bytes(text), juce::dontSendNotification);
    }
    setVisible(lost_at != 0);
    if (auto* parent = getParentComponent())
        parent->resized();
}
