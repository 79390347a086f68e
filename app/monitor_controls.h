// The controls the poll cycles read and write, as thread-safe state.
//
// A cycle runs on a worker thread, so it never touches a widget: it works on
// these models, each call one complete operation, and the window's widgets
// follow them on the GUI thread. Members are named as the controls are.
#pragma once

#include "platform/edit_box_model.h"
#include "platform/list_view_model.h"

namespace velmora {

// What a poll cycle may use. References: the state outlives every cycle.
struct MonitorControls {
  platform::EditBoxModel& 编辑框1;         // address of the item page
  platform::EditBoxModel& 编辑框2;         // last total seen (read-only box)
  platform::EditBoxModel& 编辑框4;         // typed stock count (manual mode)
  platform::ListViewModel& 超级列表框1;    // one row per SKU: name, SKU, stock, sold
  platform::ListViewModel& 超级列表框2;    // one row per sales event: time, sold
};

// Owns the state behind MonitorControls. The window keeps one; tests of the
// cycles can make their own without any window.
struct MonitorState {
  // "输入单SKU库存数", the prompt 编辑框4 starts with.
  static constexpr char kStockPrompt[] =
      "\xca\xe4\xc8\xeb\xb5\xa5\x53\x4b\x55\xbf\xe2\xb4\xe6\xca\xfd";

  platform::EditBoxModel 编辑框1;
  platform::EditBoxModel 编辑框2;
  platform::EditBoxModel 编辑框4{kStockPrompt};
  platform::ListViewModel 超级列表框1{4};
  platform::ListViewModel 超级列表框2{2};

  MonitorControls Controls() {
    return {编辑框1, 编辑框2, 编辑框4, 超级列表框1, 超级列表框2};
  }
};

}  // namespace velmora
