#pragma once
// Blocks an object's signals for the guard's lifetime. The end of the scope always unblocks, whatever the
// state was before: the viewers use it around their own toolbar updates, where nothing else blocks.
#include <QObject>
#include <QPointer>

namespace VORNE {

template <class T>
class SignalBlocker
{
public:
    explicit SignalBlocker(T* object) : m_object(object)
    {
        if (m_object)
            m_object->blockSignals(true);
    }
    virtual ~SignalBlocker()
    {
        // The object may have died inside the guarded scope.
        if (m_object)
            m_object->blockSignals(false);
    }

    SignalBlocker(const SignalBlocker&) = delete;
    SignalBlocker& operator=(const SignalBlocker&) = delete;

private:
    QPointer<T> m_object;
};

} // namespace VORNE
