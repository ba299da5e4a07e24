#pragma once
// Plugs the picture browser, with the upload pane, into the main frame.
namespace ui {
class ConnectionFacts;
}

// Without facts the upload takes the application object's at the time of each upload.
void RegisterPictureViews(ui::ConnectionFacts* facts = nullptr);
