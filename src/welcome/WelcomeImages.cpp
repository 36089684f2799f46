#include "welcome/WelcomeImages.h"

#include "platform/Bundle.h"

namespace welcome {

QImage imageNamed(const QString& name)
{
    const QString path = platform::Bundle::main().pathForResource(name, QStringLiteral("png"),
                                                                  QStringLiteral("WelcomeImages"));
    QImage image;
    if (path.isEmpty() || !image.load(path))
        return QImage();
    // The images are drawn at twice their size in points.
    image.setDevicePixelRatio(2.0);
    return image;
}

} // namespace welcome
