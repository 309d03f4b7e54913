#pragma once

// The Qt application the drawing commands need, without a display.

#include <QGuiApplication>

#include <memory>

// The offscreen platform unless the caller chose one; Qt's note that
// XDG_RUNTIME_DIR is unset is kept off standard error.
std::unique_ptr<QGuiApplication> StartHeadlessGui();
