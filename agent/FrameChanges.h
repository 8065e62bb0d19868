#pragma once

#include <QJsonObject>
#include <QString>

#include <vector>

struct StatusFrame;

// One change between two frames of a unit, as an event kind and its values.
struct FrameChange
{
    QString strKind;
    QJsonObject values;
};

// What changed from pBefore to after, in a fixed order: the model, the three alarm lamps, the PLL
// lock, the carrier's mute. Without a frame before, the unit counts as all clear (no alarm, PLL
// locked, carrier on) and of no model yet, so a first frame reports what is already wrong.
std::vector<FrameChange> FrameChanges(const StatusFrame* pBefore, const StatusFrame& after);
