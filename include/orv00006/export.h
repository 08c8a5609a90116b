#pragma once
// Marks what the discount module exports. The dialog's unit and the package
// unit both use it; everything else in the module stays hidden.
#define ORV_API __attribute__((visibility("default")))
