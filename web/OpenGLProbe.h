#pragma once

#include <QString>

// Whether this display's OpenGL is a software rasterizer (Mesa's llvmpipe,
// Windows' basic renderer). QtWebEngine composes its pages through OpenGL
// when the application shares a context with it; on a software rasterizer
// that costs the shell the driver (about 28 MB, mostly LLVM) and every frame
// of every slide, where its software painting costs neither. The renderer is
// asked of a short-lived helper program (vantara-glprobe, beside the shell's
// library), since a driver once loaded stays in the process.
class OpenGLProbe
{
public:
    enum class Answer { Unknown, Hardware, Software, None };

    // Starts asking, once, where the answer matters (an X11 or Windows
    // display, no painting chosen by QT_QUICK_BACKEND).
    static void start();
    // The answer, waited for when still coming (a few seconds at most);
    // Unknown when the helper is missing or fails.
    static Answer answer();
    // Whether a GL_RENDERER string names a software rasterizer.
    static bool namesSoftware(const QString &renderer);
    // What the helper's exit and output say.
    static Answer read(int exitCode, const QByteArray &output);
    // Where the helper is looked for: beside the shell's library.
    static QString programPath();
    static QString programName();
};
