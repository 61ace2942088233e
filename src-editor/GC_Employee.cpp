#include "GC_Employee.h"

#include "VekApp.h"

GC_Employee::GC_Employee(const std::string& caption, EditorComponent* owner_)
    : GroupboxWithCombobox(caption, owner_)
{
}

void GC_Employee::populate_for_department(std::uint64_t department_id)
{
    if (department_id == 0 || ! is_new_choice(Choice::department, department_id))
        return;
    const VekApplication& app = vek();
    std::vector<Item> items;
    std::vector<Item> former;
    for (const Employee* employee : app.employees_of_department(department_id))
        add_record(employee->active ? items : former, employee->id, employee->full_name1, employee->active);
    // Former employees can be shown as the author of an old entry but not chosen.
    if (! former.empty())
    {
        items.push_back({});
        items.insert(items.end(), former.begin(), former.end());
    }
    repopulate(std::move(items), true);
}

void GC_Employee::comboBoxChanged(juce::ComboBox* box)
{
    if (is_department_box(box))
        populate_for_department(department_changed("employee names"));
}
