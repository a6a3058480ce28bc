// The plugin's root object: makes controls for the program.
#pragma once

#include "brimsel/brimsel_factory.h"

#include <QObject>

class CBrimselPlugin : public QObject, public IBrimselFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID BRIMSEL_FACTORY_IID FILE "brimsel.json")
    Q_INTERFACES(IBrimselFactory)
public:
    QWidget* CreateControl(QWidget* parent) override;
};
