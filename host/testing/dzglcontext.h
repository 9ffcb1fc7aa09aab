#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <iosfwd>
#include <memory>

namespace dztest {

// One framebuffer pixel, 8 bits a channel.
struct Rgba {
    int r = 0;
    int g = 0;
    int b = 0;
    int a = 0;

    bool operator==(Rgba const& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(Rgba const& o) const { return !(*this == o); }
    // Every channel within tolerance of the other's.
    bool isNear(Rgba const& o, int tolerance) const;
};
std::ostream& operator<<(std::ostream& os, Rgba const& c);

// An offscreen OpenGL compatibility-profile context with its own colour and depth framebuffer, for tests that
// draw with immediate-mode OpenGL and read the pixels back. Needs a platform with OpenGL (xcb under Xvfb);
// QT_QPA_PLATFORM=offscreen has none, and create() then fails with a message saying so.
class GlContext {
public:
    GlContext();
    ~GlContext();
    GlContext(GlContext const&) = delete;
    GlContext& operator=(GlContext const&) = delete;

    // Makes the context and a width x height framebuffer, leaves both current and bound, the viewport set to
    // the whole framebuffer and the projection to ortho(). False with the reason in error() on failure.
    bool create(int width, int height);
    QString const& error() const { return m_error; }
    // Vendor, renderer and version strings of the current context.
    QString info() const;

    bool makeCurrent();
    void doneCurrent();
    int width() const { return m_width; }
    int height() const { return m_height; }

    // Projection: x in [left, right] and y in [bottom, top] fill the framebuffer, z in [-far, -near] visible;
    // model-view identity. ortho() alone maps one unit to one pixel, (0, 0) the lower-left corner.
    void setOrtho(double left, double right, double bottom, double top, double nearZ = -1.0,
                  double farZ = 1.0);
    void ortho() { setOrtho(0.0, m_width, 0.0, m_height); }
    // Clears colour (to the given RGBA) and depth.
    void clear(float r = 0.0f, float g = 0.0f, float b = 0.0f, float a = 0.0f);

    // Pixel (x, y) in framebuffer coordinates, (0, 0) the lower-left one. Finishes pending drawing first.
    Rgba pixel(int x, int y) const;
    // How many pixels are within tolerance of the colour; not equal to it when `equal` is false.
    int countPixels(Rgba const& colour, int tolerance = 0, bool equal = true) const;
    // The whole framebuffer, top row first (as QImage shows it), for saving when a test fails.
    QImage image() const;
    // The first OpenGL error since the last call, 0 for none.
    unsigned glError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
    QString m_error;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace dztest
