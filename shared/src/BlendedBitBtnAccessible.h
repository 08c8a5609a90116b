#pragma once

namespace dll {

// Makes keypad buttons known to assistive technology as push buttons; once
// per process, on the first button.
void InstallButtonAccessibleFactory();

}  // namespace dll
