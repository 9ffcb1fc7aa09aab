#pragma once

#include <qopengl.h>

// Scoped changes of OpenGL state: each guard sets the state at construction and puts back what it found at
// destruction, so that a draw call leaves the host's context as it was. Current context only; GUI thread.

// The polygon mode of front and back faces.
class HvGlPolygonModeGuard {
public:
    explicit HvGlPolygonModeGuard(GLenum mode) {
        glGetIntegerv(GL_POLYGON_MODE, m_modes);
        glPolygonMode(GL_FRONT_AND_BACK, mode);
    }
    ~HvGlPolygonModeGuard() {
        glPolygonMode(GL_FRONT, GLenum(m_modes[0]));
        glPolygonMode(GL_BACK, GLenum(m_modes[1]));
    }
    HvGlPolygonModeGuard(HvGlPolygonModeGuard const&) = delete;
    HvGlPolygonModeGuard& operator=(HvGlPolygonModeGuard const&) = delete;

private:
    GLint m_modes[2] = {GL_FILL, GL_FILL};
};

// The line width.
class HvGlLineWidthGuard {
public:
    explicit HvGlLineWidthGuard(float width) {
        glGetFloatv(GL_LINE_WIDTH, &m_width);
        glLineWidth(width);
    }
    ~HvGlLineWidthGuard() { glLineWidth(m_width); }
    HvGlLineWidthGuard(HvGlLineWidthGuard const&) = delete;
    HvGlLineWidthGuard& operator=(HvGlLineWidthGuard const&) = delete;

private:
    GLfloat m_width = 1.0f;
};

// A capability (GL_LIGHTING, ...) switched off for the scope; switched on again only when it was on.
class HvGlDisableGuard {
public:
    explicit HvGlDisableGuard(GLenum capability)
        : m_capability(capability), m_wasOn(glIsEnabled(capability)) {
        if (m_wasOn)
            glDisable(m_capability);
    }
    ~HvGlDisableGuard() {
        if (m_wasOn)
            glEnable(m_capability);
    }
    HvGlDisableGuard(HvGlDisableGuard const&) = delete;
    HvGlDisableGuard& operator=(HvGlDisableGuard const&) = delete;

private:
    GLenum m_capability;
    bool m_wasOn;
};
