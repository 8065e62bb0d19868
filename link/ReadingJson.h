#pragma once

#include <QJsonObject>

struct StatusFrame;

// The readings of one status frame as one JSON object, the same wherever a program exposes
// them. Every key carries its unit (forward_power_w, pa_temperature_c, frequency_mhz); the two
// power texts are the panel's; a unit without power readings has null powers and empty texts.
QJsonObject ReadingJson(const StatusFrame& frame);
