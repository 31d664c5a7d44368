// The program's pictures on a scaled screen: the same size on it, drawn from twice the pixels.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "ui/qt/node_qt.h"

ui::Application& App();

namespace {

TEST(Pictures, DrawnForTheScreensPixelRatio) {
  App();
  const qreal ratio = qGuiApp->devicePixelRatio() > 1 ? 2 : 1;
  for (const char16_t* name : {u"logo", u"skip", u"start_disabled"}) {
    QPixmap picture = ui::Picture(name);
    ASSERT_FALSE(picture.isNull()) << TextToUtf8(name);
    EXPECT_EQ(picture.devicePixelRatio(), ratio) << TextToUtf8(name);
    QPixmap plain(QStringLiteral(":/images/") + ui::Q(name) + ".png");
    EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(plain.size())) << TextToUtf8(name);
  }
}

}  // namespace
