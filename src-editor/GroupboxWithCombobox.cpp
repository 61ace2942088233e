#include "GroupboxWithCombobox.h"

#include "EditorComponent.h"
#include "Log.h"
#include "ShownText.h"

#include <limits>

GroupboxWithCombobox::GroupboxWithCombobox(const std::string& caption, EditorComponent* owner_)
    : GroupboxBase(caption, owner_), combobox(ShownText::from_bytes("combobox for " + caption))
{
    content = &combobox;
    combobox.setEditableText(false);
    combobox.setScrollWheelEnabled(true);
    combobox.setTextWhenNothingSelected("No selection made.");
    addAndMakeVisible(combobox);
}

std::uint64_t GroupboxWithCombobox::get_dbid() const
{
    const int id = combobox.getSelectedId();
    if (id > 0)
        return static_cast<std::uint64_t>(id);
    if (id < 0)
        LogLine() << getName().toStdString() << ": invalid dbid #" << 0 << ", combobox id was #" << id;
    return 0;
}

bool GroupboxWithCombobox::is_valid() const
{
    const std::uint64_t id = get_dbid();
    return id != 0 && combobox.isItemEnabled(static_cast<int>(id));
}

void GroupboxWithCombobox::select_single_item()
{
    if (combobox.getNumItems() == 1)
        combobox.setSelectedItemIndex(0, juce::sendNotificationAsync);
}

void GroupboxWithCombobox::select_dbid(std::uint64_t dbid)
{
    combobox.setSelectedId(item_id(dbid), juce::sendNotificationAsync);
}

void GroupboxWithCombobox::show_text(const std::string& text)
{
    if (text.empty())
    {
        combobox.setSelectedId(0, juce::sendNotificationAsync);
        return;
    }
    combobox.setText(ShownText::from_bytes(text),
                     juce::sendNotificationAsync);
}

int GroupboxWithCombobox::item_id(std::uint64_t dbid)
{
    return dbid <= static_cast<std::uint64_t>(std::numeric_limits<int>::max()) ? static_cast<int>(dbid) : 0;
}

void GroupboxWithCombobox::add_record(std::vector<Item>& items, std::uint64_t dbid, const std::string& text,
                                      bool enabled)
{
    const int id = item_id(dbid);
    if (id == 0)
    {
        // Cut down to 32 bits it would stand for another record, which a save would then store.
        LogLine() << "cannot list record #" << dbid << " (" << text << "): its id is too large for a list";
        return;
    }
    items.push_back({text, id, enabled});
}

bool GroupboxWithCombobox::is_new_choice(Choice choice, std::uint64_t id)
{
    if (choice == listed_choice && id == listed_choice_id)
        return false;
    listed_choice = choice;
    listed_choice_id = id;
    return true;
}

void GroupboxWithCombobox::repopulate(std::vector<Item> items, bool single)
{
    if (items == listed)
        return;

    const std::string remembered = combobox.getText().toStdString();
    combobox.clear(juce::sendNotificationAsync);
    listed = std::move(items);
    juce::PopupMenu& menu = *combobox.getRootMenu();
    int count = 0;
    int only = 0;
    for (const auto& item : listed)
    {
        if (item.id == 0)
        {
            menu.addSeparator();
            continue;
        }
        menu.addItem(item.id, ShownText::from_bytes(item.text),
                     item.enabled);
        ++count;
        only = item.id;
    }

    int chosen = 0;
    if (single && count == 1)
        chosen = only;
    else if (! remembered.empty()) // an empty text is no selection, even where a record has no name
        for (const auto& item : listed)
            if (item.id != 0 && item.text == remembered)
            {
                chosen = item.id;
                break;
            }
    if (chosen != 0)
        combobox.setSelectedId(chosen, juce::sendNotificationAsync);
}

bool GroupboxWithCombobox::is_department_box(const juce::ComboBox* box) const
{
    return owner != nullptr && box == &owner->department.combobox;
}

std::uint64_t GroupboxWithCombobox::department_changed(const char* what) const
{
    const std::uint64_t id = owner->department.get_dbid();
    LogLine() << getName().toStdString() << ": department id change detected, need to update " << what
              << " for department #: " << id;
    return id;
}
