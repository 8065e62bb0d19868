#pragma once

#include <QJsonObject>

struct StatusFrame;

// The readings of one status frame as a JSON object: each reading with its unit in the key
// name, the two power texts as the panel shows them, the lamps, muted, the model and its code.
QJsonObject ReadingObject(const StatusFrame& frame);
