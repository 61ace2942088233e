#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <string>

class EditorComponent;

// The frame of one editor field: a group box captioned with the field's name around one inner
// widget (the content), which fills the frame's top below the caption.
class GroupboxBase : public juce::GroupComponent
{
public:
    EditorComponent* owner = nullptr;
    juce::Component* content = nullptr;

    GroupboxBase(const std::string& caption, EditorComponent* owner);
    ~GroupboxBase() override;

    // The database id of the field's value; 0 when it has none.
    virtual std::uint64_t get_dbid() const;
    virtual bool is_valid() const;

    void resized() override;
};
