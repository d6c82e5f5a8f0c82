// What a complete install leaves, checked the same way whichever way setup.exe was started.
#pragma once

#include <string>

namespace e2e {

// Shortcuts of an earlier scenario must not count for this one.
void RemoveLinks();
// Forgets what earlier scenarios left in the registry.
void ForgetRegistrations();
// Every payload file, template, registration and the desktop shortcut, for `dir`.
void ExpectInstalled(const std::string& dir);

}  // namespace e2e
