#include "GC_Motor.h"

#include "EditorComponent.h"
#include "VekApp.h"

#include <set>

namespace
{
// What the list shows for a piece of equipment: its tag and its name.
std::string motor_text(const Motor& motor)
{
    std::string text;
    text.reserve(motor.mid.size() + 1 + motor.description.size());
    return text.append(motor.mid).append(" ").append(motor.description);
}

template <typename Wanted>
std::vector<GroupboxWithCombobox::Item> motors_where(const Wanted& wanted)
{
    const VekApplication& app = vek();
    std::vector<GroupboxWithCombobox::Item> items;
    for (const Motor* motor : GroupboxWithCombobox::records_where(app.motor_ids, app.motors, wanted))
        GroupboxWithCombobox::add_record(items, motor->id, motor_text(*motor));
    return items;
}
} // namespace

GC_Motor::GC_Motor(const std::string& caption, EditorComponent* owner_) : GroupboxWithCombobox(caption, owner_)
{
    combobox.addListener(this);
}

void GC_Motor::populate_all()
{
    if (! is_new_choice(Choice::all))
        return;
    repopulate(motors_where([](const Motor&) { return true; }), false);
}

void GC_Motor::populate_for_cost_center(std::uint64_t cost_center_id)
{
    if (! is_new_choice(Choice::cost_center, cost_center_id))
        return;
    // The cost center's systems first: a motor belongs to a cost center through its system.
    std::set<std::uint64_t> systems;
    for (const auto& [id, process] : vek().processes)
        if (process.cost_center_id == cost_center_id)
            systems.insert(id);
    repopulate(motors_where([&systems](const Motor& motor) { return systems.count(motor.process_id) != 0; }), true);
}

void GC_Motor::populate_for_process(std::uint64_t process_id)
{
    if (! is_new_choice(Choice::process, process_id))
        return;
    std::vector<Item> items;
    for (const Motor* motor : vek().motors_of_process(process_id))
        add_record(items, motor->id, motor_text(*motor));
    repopulate(std::move(items), true);
}

void GC_Motor::comboBoxChanged(juce::ComboBox* box)
{
    if (box != &combobox)
        return;

    const std::uint64_t chosen = get_dbid();
    const std::uint64_t system = owner->system.get_dbid();
    const std::uint64_t cost_center = owner->cost_center.get_dbid();
    if (chosen == 0)
        return;

    const Motor motor = vek().motor_at(chosen);
    const CostCenter motor_cost_center = motor.cost_center();
    if (system != motor.process_id)
    {
        owner->system.populate_for_cost_center(motor_cost_center.id);
        owner->system.select_dbid(motor.process_id);
    }
    if (cost_center != motor_cost_center.id)
    {
        owner->cost_center.populate_all();
        owner->cost_center.select_dbid(motor_cost_center.id);
    }
}
