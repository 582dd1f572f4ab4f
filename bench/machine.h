#pragma once

#include <QStringList>

// The machine the figures were measured on: processors, CPU model, memory, load.
QStringList DescribeMachine();
