#include "registerpictures.h"

#include "bluetooth/upload/imageright.h"
#include "ui/pictures/imageview.h"

void RegisterPictureViews(ui::ConnectionFacts* facts) {
    pictures::RegisterImageView([facts]() -> CPicturePane* { return new CImageRight(facts); });
}
