#pragma once

#include "GroupboxBase.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
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

    // The records that pass a test, in the order of an order list. They are found in one walk
    // through the map instead of a lookup per listed id: a big site has 5,000 pieces of equipment.
    template <typename Record, typename Wanted>
    static std::vector<const Record*> records_where(const std::vector<std::uint64_t>& order,
                                                    const std::map<std::uint64_t, Record>& records,
                                                    const Wanted& wanted)
    {
        std::vector<std::pair<std::uint64_t, const Record*>> found; // by ascending id, as the map holds them
        for (const auto& [id, record] : records)
            if (wanted(record))
                found.emplace_back(id, &record);
        std::vector<const Record*> result;
        result.reserve(found.size());
        for (const auto id : order)
        {
            const auto at = std::lower_bound(found.begin(), found.end(), id,
                                             [](const auto& entry, std::uint64_t key) { return entry.first < key; });
            if (at != found.end() && at->first == id)
                result.push_back(at->second);
        }
        return result;
    }

    // The same, listed by name.
    template <typename Record, typename Wanted>
    static std::vector<Item> named_records(const std::vector<std::uint64_t>& order,
                                           const std::map<std::uint64_t, Record>& records, const Wanted& wanted)
    {
        std::vector<Item> items;
        for (const Record* record : records_where(order, records, wanted))
            add_record(items, record->id, record->name);
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
    // How a list was chosen: every record, or those of one cost center, system or department.
    enum class Choice
    {
        none,
        all,
        cost_center,
        process,
        department
    };

    // Whether the list chosen so is not the one the box holds already, remembering it as the
    // box's. The store does not change while the program runs, so the same choice gives the same
    // list, and a cascade that asks for it again need not build it again.
    bool is_new_choice(Choice choice, std::uint64_t id = 0);

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
    Choice listed_choice = Choice::none;
    std::uint64_t listed_choice_id = 0;
};
