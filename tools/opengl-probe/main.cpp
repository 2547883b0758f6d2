// Prints the renderer of this display's OpenGL (GL_RENDERER) and ends; exit
// status 1 when there is no OpenGL at all. The shell asks it, so that the
// driver it names never loads into the shell's own process.
#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <cstdio>

int main(int, char **argv)
{
    // Its arguments are not Qt's to read (a plug-in path would load code).
    int argc = 1;
    char *own[] = {argv[0], nullptr};
    QGuiApplication app(argc, own);
    QOpenGLContext context;
    context.setFormat(QSurfaceFormat::defaultFormat());
    QOffscreenSurface surface;
    surface.create();
    if (!context.create() || !context.makeCurrent(&surface))
        return 1;
    const GLubyte *renderer = context.functions()->glGetString(GL_RENDERER);
    std::printf("%s\n", renderer ? reinterpret_cast<const char *>(renderer) : "");
    context.doneCurrent();
    return 0;
}
