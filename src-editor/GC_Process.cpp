#include "GC_Process.h"

#include "EditorComponent.h"
#include "VekApp.h"

GC_Process::GC_Process(const std::string& caption, EditorComponent* owner_) : GroupboxWithCombobox(caption, owner_)
{
    combobox.addListener(this);
}

void GC_Process::populate_all()
{
    if (! is_new_choice(Choice::all))
        return;
    const VekApplication& app = vek();
    repopulate(named_records(app.process_ids, app.processes), false);
}

void GC_Process::populate_for_cost_center(std::uint64_t cost_center_id)
{
    if (! is_new_choice(Choice::cost_center, cost_center_id))
        return;
    const VekApplication& app = vek();
    const auto of_cost_center = [cost_center_id](const Process& process) {
        return process.cost_center_id == cost_center_id;
    };
    repopulate(named_records(app.process_ids, app.processes, of_cost_center), true);
}

void GC_Process::comboBoxChanged(juce::ComboBox* box)
{
    if (box == &combobox)
        list_equipment_of_choice();
}

void GC_Process::list_equipment_of_choice()
{
    const std::uint64_t system = get_dbid();
    if (system != 0)
    {
        owner->equipment.populate_for_process(system);
        return;
    }
    const std::uint64_t cost_center = owner->cost_center.get_dbid();
    if (cost_center != 0)
        owner->equipment.populate_for_cost_center(cost_center);
    else
        owner->equipment.populate_all();
}
