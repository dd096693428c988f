// A pane that holds other panes: the base of every control and of the window. It adds no
// behaviour of its own; a new container is finished (Created) as soon as it is made.
#pragma once

#include "windows/SubPane.h"

class ContainerPane : public SubPane {
 public:
  ContainerPane(SubPane* parent, int32_t panelIndex, const QV::Rect& bounds)
      : SubPane(parent, panelIndex, bounds, true) {}
};
