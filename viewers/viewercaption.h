#pragma once
// Why the viewer's picture is not a result: a wrapping line of text in the viewer window's own status bar,
// below the plug-in's window and its status line, so that it never covers either. The status bar is shown
// only while the caption has text. Colours come from the window's palette.
//
// A reason often holds a long path, which a label would only wrap between words and so cut at the window's
// edge: the caption breaks such words too, and reports the height its text needs at its current width,
// since the status bar sizes itself by its widgets' hints.
#include <QLabel>

class QMainWindow;
class QTextLayout;

namespace VORNE {

class ViewerCaption : public QLabel
{
    Q_OBJECT

public:
    // window: the viewer; the caption lives in its status bar, created here.
    explicit ViewerCaption(QMainWindow* window);

    // An empty text hides the caption and the status bar.
    void say(const QString& text);

    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The width the hints are for.
    int hintWidth() const;
    // Lays the text out in lines of the given width; the height of all lines.
    qreal layOut(QTextLayout& layout, int width) const;
};

} // namespace VORNE
