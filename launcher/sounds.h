#pragma once

// The welcome sound, started once after the window appears. It never cuts off a sound that is
// already playing (the hover sound of an early pointer): then it is skipped for good.
void WelcomeSound();

// The click as the pointer enters a button; it cuts off whatever the launcher is playing.
void HoverSound();
