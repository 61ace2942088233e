#include "GroupboxBase.h"

#include "Log.h"
#include "ShownText.h"

#include <algorithm>

GroupboxBase::GroupboxBase(const std::string& caption, EditorComponent* owner_)
    : juce::GroupComponent(ShownText::from_bytes(caption), ShownText::from_bytes(caption)),
      owner(owner_)
{
}

GroupboxBase::~GroupboxBase()
{
    LogLine() << "-> destructing " << getName().toStdString();
}

std::uint64_t GroupboxBase::get_dbid() const
{
    return 0;
}

bool GroupboxBase::is_valid() const
{
    return get_dbid() != 0;
}

void GroupboxBase::resized()
{
    if (content == nullptr)
        return;

    // Below the caption, 5 pixels inside the frame; a low frame gives up the caption's room first.
    const int top = 5 + std::min(8, getHeight() - 10);
    const juce::Rectangle<int> area(5, top, std::max(0, getWidth() - 10), std::max(0, getHeight() - 5 - top));

    juce::FlexBox column;
    column.flexDirection = juce::FlexBox::Direction::column;
    column.items.add(juce::FlexItem(*content).withHeight(25.0f));
    column.performLayout(area);
}
