// Marks the few names a plug-in module exports; everything else stays inside the module.
#pragma once

#define ORKE_EXPORT __attribute__((visibility("default")))
