#include "welcome/WindowDrag.h"

#include <QWidget>
#include <QWindow>

namespace welcome {

bool moveWindowByDragging(QWidget* widget)
{
    if (!widget)
        return false;
    QWidget* top = widget->window();
    QWindow* handle = top ? top->windowHandle() : nullptr;
    return handle && handle->startSystemMove();
}

} // namespace welcome
