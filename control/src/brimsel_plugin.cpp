#include "brimsel_plugin.h"

#include "brimsel_ctrl.h"

QWidget* CBrimselPlugin::CreateControl(QWidget* parent)
{
    return new CBrimselCtrl(parent);
}
