#pragma once

#include "UnitState.h"

#include <QRandomGenerator>

// How a unit on the air reports itself from one reply to the next. Peak deviation and gain
// reduction follow the programme's audio; forward and reflected power, the two supply voltages
// and the P.A. temperature drift by one step a reply within a narrow band about the unit's own
// settings, so that a command that raises the power shows in the next reply. Every one of these
// readings differs from the last reply's; the frequency, the flags and the unit code stay as
// set. A unit that reports no deviation (the amplifier) reports no audio. The same seed gives
// the same readings.
class CLiveReadings
{
public:
    explicit CLiveReadings(quint32 nSeed);

    // The state to report for the next reply of a unit whose settings are `set`.
    UnitState Next(const UnitState& set);

private:
    // The reading one step from nLast, up or down at random, within nBand of nCentre and within
    // nLower..nUpper; back at the centre when nLast lies outside (the settings changed).
    int Drift(int nLast, int nCentre, int nBand, int nLower, int nUpper);
    // nValue, or one step beside it when it equals nLast, within nLower..nUpper.
    static int Changed(int nValue, int nLast, int nLower, int nUpper);

    QRandomGenerator m_random;
    double m_dLoudness = 0.5; // the programme's level, 0 to 1, smoothed over a few replies
    UnitState m_last;
    bool m_bFirst = true;
};
