#include "app/Module1.h"

#include "app/frmMain.h"

frmMain *objMainForm = nullptr;

void Main()
{
    objMainForm = new frmMain;
    objMainForm->show();
}
