#include "apps/ModelWindows.h"
#include "apps/PanelProgram.h"

int main(int argc, char *argv[])
{
    return qm::runPanel(argc, argv, "qm410a-panel", qm::qm410aWindow());
}
