#pragma once
// A caption laid over the lower part of a viewer window's picture: says why the picture did not change.
// It follows the window's size and stays above whatever the window's central widget becomes.
#include <QLabel>

namespace VORNE {

class ViewerCaption : public QLabel
{
    Q_OBJECT

public:
    // window: the viewer whose central area the caption covers; it becomes the parent.
    explicit ViewerCaption(QWidget* window);

    void say(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
};

} // namespace VORNE
