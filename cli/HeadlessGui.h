#pragma once

// The Qt application the drawing commands need, without a display.

#include <QGuiApplication>

#include <memory>

// The offscreen platform, with the caller's offscreen options if any; Qt's note that
// XDG_RUNTIME_DIR is unset is kept off standard error.
std::unique_ptr<QGuiApplication> StartHeadlessGui();
