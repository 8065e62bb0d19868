#pragma once

#include "memdc.h"

#include <QColor>
#include <QFont>
#include <QtGlobal>

#include <optional>

// Sets one drawing attribute of a device context for its lifetime. However often the value
// changes meanwhile, Restore() and the destructor put back the value from before the first
// change, once.
template <typename T, auto Set> class CDCScope
{
public:
    CDCScope(const CDCScope&) = delete;
    CDCScope& operator=(const CDCScope&) = delete;

    void Restore()
    {
        if (!m_saved)
            return;
        const std::optional<T> previous = (m_pDC->*Set)(*m_saved);
        Q_ASSERT_X(previous.has_value(), "drawgdix.h", "restoring a drawing attribute failed");
        m_saved.reset();
    }

protected:
    CDCScope(CDC& dc, const T& value) : m_pDC(&dc) { Apply(value); }
    ~CDCScope() { Restore(); }

    void Apply(const T& value)
    {
        std::optional<T> previous = (m_pDC->*Set)(value);
        Q_ASSERT_X(previous.has_value(), "drawgdix.h", "a drawing attribute was refused");
        if (previous && !m_saved)
            m_saved = std::move(previous);
    }

private:
    CDC* m_pDC;
    std::optional<T> m_saved;
};

class CFontDC : public CDCScope<QFont, &CDC::SelectFont>
{
public:
    CFontDC(CDC& dc, const QFont& font) : CDCScope(dc, font) {}
    void Select(const QFont& font) { Apply(font); }
};

class CTextColorDC : public CDCScope<QColor, &CDC::SetTextColor>
{
public:
    CTextColorDC(CDC& dc, const QColor& clr) : CDCScope(dc, clr) {}
    void SetTextColor(const QColor& clr) { Apply(clr); }
};

class CBkModeDC : public CDCScope<int, &CDC::SetBkMode>
{
public:
    CBkModeDC(CDC& dc, int nMode) : CDCScope(dc, nMode) {}
    void SetBkMode(int nMode) { Apply(nMode); }
};

class CTextAlignDC : public CDCScope<quint32, &CDC::SetTextAlign>
{
public:
    CTextAlignDC(CDC& dc, quint32 nFlags) : CDCScope(dc, nFlags) {}
    void SetTextAlign(quint32 nFlags) { Apply(nFlags); }
};
