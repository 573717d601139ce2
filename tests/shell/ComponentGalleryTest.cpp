#include "app/platform/SymbolImage.h"
#include "app/platform/Theme.h"
#include "app/shell/ComponentGallery.h"
#include "app/shell/SymbolView.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

namespace {

QImage render(ComponentGallery& sheet) {
  sheet.resize(sheet.sizeHint());
  sheet.show();
  return sheet.grab().toImage();
}

// Writes the sheet where PELMORA_SCREENSHOTS points, for a person to look at.
void keep(const QImage& image, const QString& name) {
  const QString folder = qEnvironmentVariable("PELMORA_SCREENSHOTS");
  if (folder.isEmpty()) {
    return;
  }
  QDir().mkpath(folder);
  ASSERT_TRUE(image.save(QDir(folder).filePath(name)));
}

}  // namespace

TEST(ComponentGallery, RendersLightAndDarkSheets) {
  ComponentGallery light(false, Theme::defaultAccent());
  ComponentGallery dark(true, Theme::defaultAccent());
  const QImage lightImage = render(light);
  const QImage darkImage = render(dark);
  keep(lightImage, QStringLiteral("gallery-light.png"));
  keep(darkImage, QStringLiteral("gallery-dark.png"));

  // Each sheet paints its own background, so the two can sit side by side.
  EXPECT_GT(QColor(lightImage.pixel(2, 2)).lightness(), 200);
  EXPECT_LT(QColor(darkImage.pixel(2, 2)).lightness(), 60);

  // Every symbol on the sheet draws in the colour of its own sheet.
  for (ComponentGallery* sheet : {&light, &dark}) {
    const auto views = sheet->findChildren<SymbolView*>();
    ASSERT_FALSE(views.isEmpty());
    for (SymbolView* view : views) {
      EXPECT_EQ(Theme::isDark(view->palette()), sheet->isDark()) << view->symbol().toStdString();
    }
  }
}
