#pragma once
// Plugs the melody view into the frame's view switching (view 150).
void RegisterMelodyView();
