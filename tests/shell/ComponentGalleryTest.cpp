#include "app/platform/Theme.h"
#include "app/shell/ComponentGallery.h"
#include "app/shell/SymbolView.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

TEST(ComponentGallery, RendersLightAndDarkSheetsAndKeepsThemForAPerson) {
  ComponentGallery light(false, Theme::defaultAccent());
  ComponentGallery dark(true, Theme::defaultAccent());
  const QString shots = qEnvironmentVariable("PELMORA_SCREENSHOTS");
  for (ComponentGallery* sheet : {&light, &dark}) {
    SCOPED_TRACE(sheet->isDark() ? "dark" : "light");
    sheet->resize(sheet->sizeHint());
    sheet->show();
    const QImage image = sheet->grab().toImage();
    // Each sheet paints its own background, so the two can sit side by side.
    const int lightness = QColor(image.pixel(2, 2)).lightness();
    EXPECT_TRUE(sheet->isDark() ? lightness < 60 : lightness > 200) << lightness;
    // Every symbol on the sheet draws in the colour of its own sheet.
    const auto views = sheet->findChildren<SymbolView*>();
    ASSERT_FALSE(views.isEmpty());
    for (SymbolView* view : views) {
      EXPECT_EQ(Theme::isDark(view->palette()), sheet->isDark()) << view->symbol().toStdString();
    }
    if (!shots.isEmpty()) {
      QDir().mkpath(shots);
      const QString name = sheet->isDark() ? QStringLiteral("gallery-dark.png")
                                           : QStringLiteral("gallery-light.png");
      EXPECT_TRUE(image.save(QDir(shots).filePath(name)));
    }
  }
}
