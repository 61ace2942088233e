#pragma once

#include <functional>
#include <string>

class DB;

// The application's connection, for the administration editors; throws when there is none.
DB& admin_database();

// Runs one user operation of an administration editor. Whatever leaves it is reported once
// (log, "problem" event, error box) and stops there, so that a failed query leaves the window
// usable instead of escaping into the framework's message loop.
// `source` names the caller's file as src-admin/File.
void report_failures(const std::string& function_name, const std::string& source, int line,
                     const std::function<void()>& work);
