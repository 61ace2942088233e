#pragma once

#include "GroupboxBase.h"

#include <cstdint>
#include <map>
#include <vector>

// A field that picks one reference record from a list. Item ids are the records' database ids;
// every selection made by the program notifies asynchronously, so the reactions of the fields to
// each other unfold over several turns of the message loop.
class GroupboxWithCombobox : public GroupboxBase, public juce::ComboBox::Listener
{
public:
    // One line of the list: a record (id above 0) or a separator (id 0).
    struct Item
    {
        std::string text;
        int id = 0;
        bool enabled = true;

        bool operator==(const Item& other) const
        {
            return id == other.id && enabled == other.enabled && text == other.text;
        }
    };

    juce::ComboBox combobox;

    GroupboxWithCombobox(const std::string& caption, EditorComponent* owner);

    std::uint64_t get_dbid() const override;
    // Selected and enabled: a former employee can be shown but is not a valid author.
    bool is_valid() const override;
    virtual void select_single_item();

    // Selects the item of a database id; an id that is not listed leaves nothing selected.
    void select_dbid(std::uint64_t dbid);
    // Selects the first item with the text; with none, the box shows the text without a selection.
    void show_text(const std::string& text);

    // What the box lists, in its order.
    const std::vector<Item>& items() const { return listed; }

    // The item id of a database id, or 0 for one that cannot be an item id (above 2147483647).
    static int item_id(std::uint64_t dbid);

    // Adds a record to a list being built; a record whose id cannot be an item id is left out.
    static void add_record(std::vector<Item>& items, std::uint64_t dbid, const std::string& text,
                           bool enabled = true);

    // The records of an order list that pass a test, listed by name.
    template <typename Record, typename Wanted>
    static std::vector<Item> named_records(const std::vector<std::uint64_t>& order,
                                           const std::map<std::uint64_t, Record>& records, const Wanted& wanted)
    {
        std::vector<Item> items;
        for (const auto id : order)
        {
            const Record& record = records.at(id);
            if (wanted(record))
                add_record(items, id, record.name);
        }
        return items;
    }

    template <typename Record>
    static std::vector<Item> named_records(const std::vector<std::uint64_t>& order,
                                           const std::map<std::uint64_t, Record>& records)
    {
        return named_records(order, records, [](const Record&) { return true; });
    }

    // Those of one department.
    template <typename Record>
    static std::vector<Item> department_records(const std::vector<std::uint64_t>& order,
                                                const std::map<std::uint64_t, Record>& records,
                                                std::uint64_t department_id)
    {
        return named_records(order, records,
                             [department_id](const Record& record) { return record.departments_id == department_id; });
    }

    // Own reactions of the fields that have some; the others ignore changes.
    void comboBoxChanged(juce::ComboBox*) override {}

protected:
    // Replaces the list and then selects: the only item when `single` and there is one, otherwise
    // the first item with the text shown before, otherwise nothing. A list that comes out the same
    // as before is left alone with its selection, or with a text shown without one.
    void repopulate(std::vector<Item> items, bool single);

    // For the fields that follow the department: whether a change came from its box, and its id
    // after the change, logged with what this field updates for it.
    bool is_department_box(const juce::ComboBox* box) const;
    std::uint64_t department_changed(const char* what) const;

private:
    std::vector<Item> listed;
};
