// CDC text output and measurement with the selected font (Qt fonts, no antialiasing).
#include "platform/DC.h"

#include "platform/DCImpl.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstring>

namespace {

const QString kEllipsis = QStringLiteral("...");

QString ToQString(LPCTSTR text, int count)
{
    if (!text)
        return QString();
    qsizetype length = count < 0 ? static_cast<qsizetype>(std::strlen(text)) : count;
    return QString::fromLatin1(text, length);
}

const QFont& CurrentFont(const CDC::Impl& dc)
{
    gdi::Object* font = dc.Font() ? dc.Font() : gdi::Stock(SYSTEM_FONT);
    return gdi::FontOf(*font);
}

// One line of formatted text: its characters and the index of the character that a
// prefix '&' underlines (-1 for none).
struct TextLine {
    QString text;
    int underline = -1;
};

TextLine StripPrefix(const QString& text)
{
    TextLine line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
            if (text[i] != QLatin1Char('&') && line.underline < 0)
                line.underline = static_cast<int>(line.text.size());
        }
        line.text.append(text[i]);
    }
    return line;
}

QString ExpandTabs(const QString& text)
{
    QString out;
    for (QChar c : text) {
        if (c == QLatin1Char('\t'))
            out.append(QString(8 - out.size() % 8, QLatin1Char(' ')));
        else
            out.append(c);
    }
    return out;
}

// Greedy word wrap at spaces; a word wider than the width stays on a line of its own.
QStringList WrapWords(const QString& paragraph, const QFontMetrics& metrics, int width)
{
    QStringList lines;
    QString current;
    for (const QString& word : paragraph.split(QLatin1Char(' '))) {
        QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
        if (!current.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
            lines.append(current);
            current = word;
        } else {
            current = candidate;
        }
    }
    lines.append(current);
    return lines;
}

QString Elide(const QString& text, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    QString kept = text;
    while (!kept.isEmpty() && metrics.horizontalAdvance(kept + kEllipsis) > width)
        kept.chop(1);
    return kept + kEllipsis;
}

std::vector<TextLine> FormatLines(const QString& text, UINT format, const QFontMetrics& metrics, int width)
{
    QString source = (format & DT_EXPANDTABS) ? ExpandTabs(text) : text;
    QStringList paragraphs;
    if (format & DT_SINGLELINE) {
        source.remove(QLatin1Char('\r'));
        source.remove(QLatin1Char('\n'));
        paragraphs.append(source);
    } else {
        source.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        paragraphs = source.split(QLatin1Char('\n'));
    }
    std::vector<TextLine> lines;
    for (const QString& paragraph : paragraphs) {
        const QStringList wrapped = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE)
                                        ? WrapWords(paragraph, metrics, width)
                                        : QStringList{paragraph};
        for (const QString& piece : wrapped) {
            TextLine line = (format & DT_NOPREFIX) ? TextLine{piece, -1} : StripPrefix(piece);
            if (format & DT_END_ELLIPSIS) {
                QString elided = Elide(line.text, metrics, width);
                if (elided != line.text && line.underline >= static_cast<int>(elided.size()) - 3)
                    line.underline = -1;
                line.text = elided;
            }
            lines.push_back(line);
        }
    }
    return lines;
}

// Paints lines of text at surface positions: background box when opaque, glyphs, and the
// prefix underline.
class TextPainter {
public:
    TextPainter(CDC::Impl& dc, const QRegion& clip) : m_dc(dc), m_metrics(CurrentFont(dc))
    {
        m_painter.begin(&SurfaceImage(*dc.Target()));
        m_painter.setClipRegion(clip);
        m_painter.setFont(CurrentFont(dc));
        m_painter.setPen(QColor::fromRgb(ToQRgb(dc.state.textColor)));
    }

    const QFontMetrics& Metrics() const { return m_metrics; }
    int LineHeight() const { return m_metrics.ascent() + m_metrics.descent(); }

    void Fill(const QRect& rc, COLORREF color)
    {
        m_painter.fillRect(rc, QColor::fromRgb(ToQRgb(color)));
        m_dc.Changed(rc);
    }

    // top-left of the text cell at p
    void Draw(QPoint p, const TextLine& line)
    {
        const int width = m_metrics.horizontalAdvance(line.text);
        const QRect box(p, QSize(width, LineHeight()));
        if (m_dc.state.bkMode == OPAQUE)
            Fill(box, m_dc.state.bkColor);
        m_painter.drawText(QPoint(p.x(), p.y() + m_metrics.ascent()), line.text);
        if (line.underline >= 0 && line.underline < line.text.size()) {
            const int x = p.x() + m_metrics.horizontalAdvance(line.text.left(line.underline));
            const int w = m_metrics.horizontalAdvance(line.text.at(line.underline));
            m_painter.fillRect(QRect(x, p.y() + m_metrics.ascent() + 1, w, 1), m_painter.pen().color());
        }
        m_dc.Changed(box);
    }

private:
    CDC::Impl& m_dc;
    QPainter m_painter;
    QFontMetrics m_metrics;
};

}  // namespace

int CDC::DrawText(const CString& text, LPRECT rc, UINT format)
{
    return DrawText(static_cast<LPCTSTR>(text), text.GetLength(), rc, format);
}

int CDC::DrawText(LPCTSTR text, int count, LPRECT rc, UINT format)
{
    if (!text || !rc)
        return 0;
    const QFontMetrics metrics(CurrentFont(*m_impl));
    const int lineHeight = metrics.ascent() + metrics.descent();
    const int width = rc->right - rc->left;
    const std::vector<TextLine> lines = FormatLines(ToQString(text, count), format, metrics, width);
    const int total = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const TextLine& line : lines)
            widest = std::max(widest, metrics.horizontalAdvance(line.text));
        rc->right = rc->left + widest;
        rc->bottom = rc->top + total;
        return total;
    }
    if (m_impl->Clip().isEmpty())
        return total;  // nothing visible (also: no surface, or an empty one)
    int top = rc->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = rc->top + (rc->bottom - rc->top - lineHeight) / 2;
        else if (format & DT_BOTTOM)
            top = rc->bottom - lineHeight;
    }
    QRegion clip = m_impl->Clip();
    if (!(format & DT_NOCLIP))
        clip &= m_impl->ToSurface(rc->left, rc->top, rc->right, rc->bottom);
    TextPainter painter(*m_impl, clip);
    int y = top;
    for (const TextLine& line : lines) {
        const int lineWidth = metrics.horizontalAdvance(line.text);
        int x = rc->left;
        if (format & DT_CENTER)
            x = rc->left + (width - lineWidth) / 2;
        else if (format & DT_RIGHT)
            x = rc->right - lineWidth;
        painter.Draw(m_impl->ToSurface(x, y), line);
        y += lineHeight;
    }
    const bool offset = (format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM));
    return offset ? top - rc->top + total : total;
}

BOOL CDC::TextOut(int x, int y, const CString& text)
{
    return TextOut(x, y, static_cast<LPCTSTR>(text), text.GetLength());
}

BOOL CDC::TextOut(int x, int y, LPCTSTR text, int count)
{
    return ExtTextOut(x, y, 0, nullptr, text, count < 0 ? 0 : static_cast<UINT>(count));
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rc, const CString& text, const int* dx)
{
    return ExtTextOut(x, y, options, rc, static_cast<LPCTSTR>(text), static_cast<UINT>(text.GetLength()), dx);
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rc, LPCTSTR text, UINT count, const int* /*dx*/)
{
    // Character spacing arrays are not used by the module; glyphs keep their advances.
    if (!m_impl->Target())
        return FALSE;
    if (m_impl->Clip().isEmpty())
        return TRUE;
    QRegion clip = m_impl->Clip();
    QRect area = rc ? m_impl->ToSurface(rc->left, rc->top, rc->right, rc->bottom) : QRect();
    if (rc && (options & ETO_CLIPPED))
        clip &= area;
    TextPainter painter(*m_impl, clip);
    if (rc && (options & ETO_OPAQUE))
        painter.Fill(area & m_impl->Clip().boundingRect(), m_impl->state.bkColor);
    if (!text || count == 0)
        return TRUE;
    const TextLine line{ToQString(text, static_cast<int>(count)), -1};
    const QFontMetrics& metrics = painter.Metrics();
    const UINT align = m_impl->state.textAlign;
    const int width = metrics.horizontalAdvance(line.text);
    if ((align & TA_CENTER) == TA_CENTER)
        x -= width / 2;
    else if (align & TA_RIGHT)
        x -= width;
    if ((align & TA_BASELINE) == TA_BASELINE)
        y -= metrics.ascent();
    else if (align & TA_BOTTOM)
        y -= painter.LineHeight();
    painter.Draw(m_impl->ToSurface(x, y), line);
    return TRUE;
}

CSize CDC::GetTextExtent(const CString& text) const
{
    return GetTextExtent(static_cast<LPCTSTR>(text), text.GetLength());
}

CSize CDC::GetTextExtent(LPCTSTR text, int count) const
{
    const QFontMetrics metrics(CurrentFont(*m_impl));
    return CSize(metrics.horizontalAdvance(ToQString(text, count)), metrics.ascent() + metrics.descent());
}

BOOL CDC::GetTextMetrics(LPTEXTMETRIC metrics) const
{
    if (!metrics)
        return FALSE;
    const gdi::Object* fontObject = m_impl->Font() ? m_impl->Font() : gdi::Stock(SYSTEM_FONT);
    const QFont& font = CurrentFont(*m_impl);
    const QFontMetrics fm(font);
    *metrics = TEXTMETRIC{};
    metrics->tmAscent = fm.ascent();
    metrics->tmDescent = fm.descent();
    metrics->tmHeight = fm.ascent() + fm.descent();
    metrics->tmInternalLeading = std::max(0, metrics->tmHeight - font.pixelSize());
    metrics->tmExternalLeading = std::max(0, fm.leading());
    metrics->tmAveCharWidth = fm.averageCharWidth();
    metrics->tmMaxCharWidth = fm.maxWidth();
    metrics->tmWeight = fontObject->logFont.lfWeight == FW_DONTCARE ? FW_NORMAL : fontObject->logFont.lfWeight;
    metrics->tmDigitizedAspectX = 96;
    metrics->tmDigitizedAspectY = 96;
    metrics->tmFirstChar = ' ';
    metrics->tmLastChar = '~';
    metrics->tmDefaultChar = '?';
    metrics->tmBreakChar = ' ';
    metrics->tmItalic = fontObject->logFont.lfItalic;
    metrics->tmUnderlined = fontObject->logFont.lfUnderline;
    metrics->tmStruckOut = fontObject->logFont.lfStrikeOut;
    metrics->tmPitchAndFamily = fontObject->logFont.lfPitchAndFamily;
    metrics->tmCharSet = fontObject->logFont.lfCharSet;
    return TRUE;
}
