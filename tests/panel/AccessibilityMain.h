#pragma once

#include <QString>

// Why this run could not make assistive technology listen (the tests then skip), or empty.
const QString& AccessibilityUnavailable();
