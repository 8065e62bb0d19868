#pragma once

#include <QByteArray>

#include <vector>

class CUnitPoller;

// What /metrics tells a Prometheus server, in its text exposition format: per unit (label
// "unit") the readings in base units (watts, degrees Celsius, volts, hertz, decibels), the lamps
// and mute as 0/1, the link state, counters of frames and missed polls, the age of the last
// frame, and the model as a label of an info metric; for the agent its version and whether
// events reach the disk. Readings of a unit that is not online are left out, never shown stale.
QByteArray MetricsText(const std::vector<const CUnitPoller*>& units, bool bEventStoreUp,
                       const char* pszVersion);
