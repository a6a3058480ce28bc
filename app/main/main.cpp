// Vorlain, the audio editor.
#include "main/vorlain_app.h"

int main(int argc, char** argv)
{
    CVorlainApp app;
    return app.Run(argc, argv);
}
