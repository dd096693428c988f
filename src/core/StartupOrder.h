// The order of every start-up step, as one list: a step declares its place by naming its
// constant (see Startup.h), and the steps run in the order of this enumeration. A layer adds
// its constant here, in its place, when its step lands; nothing else in the tree fixes the
// order, so no lower folder needs to know the layers above it.
#pragma once

#include <cstdint>

enum StartupOrder : uint32_t {
  // Process start, before anything else runs: the hooks through which lower layers reach the
  // layers above them.
  kStartupHooksBegin,
  kStartupDrawFocusHook = kStartupHooksBegin,
  kStartupHooksEnd,

  // The application's first call (RuntimeInitExternalClasses): the intrinsic classes, the
  // global-function table, then the class library, so that class names and global functions
  // resolve before compiled code uses them. Plug-ins install between the global-function table
  // and the class library once their loader lands. The class library's full list, each class
  // joining in its place when its layer lands: SocketCore, TCPSocket, UDPSocket, Datagram,
  // ServerSocket, Socket, IPCSocket, Object, Timer, Serial, SerialPort, DatabaseQuery,
  // RGBSurface, (Picture registers itself), Graphics, Control, RectControl,
  // listSelectionProvider, ListColumn, Listbox, OldListbox, Sys$ListboxAction,
  // listColumnValueProvider, Canvas, StaticText, ContextualMenu, ScrollBar, Slider, Window,
  // ContainerControl, EmbeddedWindowControl, GroupBox, Line, Oval, RoundRectangle, Rectangle,
  // EditField, PagePanel, OLEContainer, sys$popupRowTag, ProgressBar, _PaneChild,
  // PrinterSetup, Toolbar, MoviePlayer, MoviePlayerAction, PushButton, CheckBox, RadioButton,
  // PopupMenu, ComboBox, NotePlayer, Movie, Sound, StyledTextPrinter, TabPanel, MouseCursor,
  // DataControlAction, DataControl, TrayItem.
  kStartupClassesBegin = kStartupHooksEnd,
  kStartupVariantClass = kStartupClassesBegin,
  kStartupEndOfLineClass,
  kStartupTextEncodingClass,
  kStartupTextConverterClass,
  kStartupEncodingsClass,
  kStartupExceptionClasses,
  kStartupGlobalFunctionTable,
  kStartupObjectClass,
  kStartupPaneChildInterface,
  kStartupClassesEnd,
};
