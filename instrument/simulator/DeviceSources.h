#pragma once

#include "Port.h"

#include <string>
#include <vector>

// Takes the device-source options out of a command line and adds their
// sources to sources: --simulate (the simulated KX-208M with
// generated memory), --simulate=FILE.mnr (its memory from that file),
// --port PATH or --port=PATH (a serial port by path). Other arguments stay.
// false and a reason when an option's value is missing or unusable.
bool TakeDeviceSourceArgs(std::vector<std::string>& args, CDeviceSources& sources, std::string& error);
