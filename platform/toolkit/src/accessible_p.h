#pragma once

namespace plat {

// Makes forms and their controls known to assistive technology; once per
// process, on the first form.
void InstallAccessibleFactory();

}  // namespace plat
