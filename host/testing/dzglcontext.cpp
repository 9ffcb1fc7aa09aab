#include "dzglcontext.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>
#include <qopengl.h>

#include <cstdlib>
#include <ostream>
#include <vector>

namespace dztest {

bool Rgba::isNear(Rgba const& o, int tolerance) const {
    return std::abs(r - o.r) <= tolerance && std::abs(g - o.g) <= tolerance &&
           std::abs(b - o.b) <= tolerance && std::abs(a - o.a) <= tolerance;
}

std::ostream& operator<<(std::ostream& os, Rgba const& c) {
    return os << "rgba(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

struct GlContext::Impl {
    QOffscreenSurface surface;
    QOpenGLContext context;
    std::unique_ptr<QOpenGLFramebufferObject> fbo;
};

GlContext::GlContext() : m_pImpl(std::make_unique<Impl>()) {}

GlContext::~GlContext() {
    if (m_pImpl->context.isValid() && m_pImpl->context.makeCurrent(&m_pImpl->surface)) {
        m_pImpl->fbo.reset();
        m_pImpl->context.doneCurrent();
    }
}

bool GlContext::create(int width, int height) {
    m_error.clear();
    if (!QGuiApplication::instance()) {
        m_error = "no QGuiApplication: OpenGL needs one";
        return false;
    }
    QString const platform = QGuiApplication::platformName();
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    m_pImpl->surface.setFormat(format);
    m_pImpl->surface.create();
    if (!m_pImpl->surface.isValid()) {
        m_error = QString(
                      "cannot create an offscreen surface on the Qt platform \"%1\" (tests that draw need "
                      "OpenGL: run them under xvfb-run with the xcb platform)")
                      .arg(platform);
        return false;
    }
    m_pImpl->context.setFormat(format);
    if (!m_pImpl->context.create()) {
        m_error = QString(
                      "cannot create an OpenGL context on the Qt platform \"%1\" (tests that draw need "
                      "OpenGL: run them under xvfb-run with the xcb platform)")
                      .arg(platform);
        return false;
    }
    if (!m_pImpl->context.makeCurrent(&m_pImpl->surface)) {
        m_error = "cannot make the OpenGL context current";
        return false;
    }
    if (m_pImpl->context.format().profile() == QSurfaceFormat::CoreProfile) {
        m_error = "the OpenGL context has the core profile; immediate-mode drawing needs compatibility";
        return false;
    }
    QOpenGLFramebufferObjectFormat fboFormat;
    fboFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
    fboFormat.setInternalTextureFormat(GL_RGBA8);
    m_pImpl->fbo = std::make_unique<QOpenGLFramebufferObject>(width, height, fboFormat);
    if (!m_pImpl->fbo->isValid() || !m_pImpl->fbo->bind()) {
        m_error = QString("cannot create a %1 x %2 framebuffer object").arg(width).arg(height);
        m_pImpl->fbo.reset();
        return false;
    }
    m_width = width;
    m_height = height;
    glViewport(0, 0, width, height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_DITHER);
    ortho();
    while (glGetError() != GL_NO_ERROR) {
    }
    return true;
}

QString GlContext::info() const {
    auto str = [](GLenum name) {
        auto const* s = reinterpret_cast<char const*>(glGetString(name));
        return QString::fromLatin1(s ? s : "?");
    };
    return str(GL_VENDOR) + " / " + str(GL_RENDERER) + " / " + str(GL_VERSION);
}

bool GlContext::makeCurrent() {
    if (!m_pImpl->context.makeCurrent(&m_pImpl->surface))
        return false;
    return !m_pImpl->fbo || m_pImpl->fbo->bind();
}

void GlContext::doneCurrent() {
    m_pImpl->context.doneCurrent();
}

void GlContext::setOrtho(double left, double right, double bottom, double top, double nearZ, double farZ) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(left, right, bottom, top, nearZ, farZ);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void GlContext::clear(float r, float g, float b, float a) {
    glClearColor(r, g, b, a);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

Rgba GlContext::pixel(int x, int y) const {
    unsigned char p[4] = {0, 0, 0, 0};
    glFinish();
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return Rgba{p[0], p[1], p[2], p[3]};
}

int GlContext::countPixels(Rgba const& colour, int tolerance, bool equal) const {
    std::vector<unsigned char> buf(size_t(m_width) * size_t(m_height) * 4);
    glFinish();
    glReadPixels(0, 0, m_width, m_height, GL_RGBA, GL_UNSIGNED_BYTE, buf.data());
    int count = 0;
    for (size_t i = 0; i < buf.size(); i += 4) {
        Rgba const c{buf[i], buf[i + 1], buf[i + 2], buf[i + 3]};
        if (c.isNear(colour, tolerance) == equal)
            ++count;
    }
    return count;
}

QImage GlContext::image() const {
    glFinish();
    return m_pImpl->fbo ? m_pImpl->fbo->toImage() : QImage();
}

unsigned GlContext::glError() const {
    return glGetError();
}

}  // namespace dztest
