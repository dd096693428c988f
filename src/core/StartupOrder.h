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
  kStartupUnhandledExceptionDialog,
  kStartupFolderItemServices,
  kStartupNetworkPollHooks,
  kStartupPictureResourceMaker,
  kStartupMovieResourceMaker,
  kStartupSoundResourceMaker,
  kStartupDatabaseResourceMaker,
  kStartupBuiltInDatabaseOpener,
  kStartupCursorResourceMaker,
  kStartupWindowSystemHooks,
  kStartupPluginClassLibrary,
  kStartupControlClassLink,
  kStartupThreadSchedulerHooks,
  kStartupToolkitContextWait,
  kStartupDebuggerConnections,
  kStartupHooksEnd,

  // Right after the toolkit is initialised: the settings read from it once.
  kStartupToolkitBegin = kStartupHooksEnd,
  kStartupGtkDefaults = kStartupToolkitBegin,
  kStartupToolkitEnd,

  // The application's first call (RuntimeInitExternalClasses), in four parts: the start-up
  // classes, the control classes, the global-function table, then the plug-ins the image
  // carries, so that every class a plug-in or a global function names is registered first.
  kStartupClassesBegin = kStartupToolkitEnd,

  // The start-up classes. Their full list, each joining in its place when its layer lands:
  // NetworkInterface, _QuicktimeInstallStatus, _SystemClass; Readable, Writeable, _Pollable;
  // ConsoleApplication, StandardInputStream, StandardOutputStream, ServiceApplication;
  // RegistryItem; Thread, Semaphore, CriticalSection, Mutex; CollectionElement, Collection,
  // Date; the database classes, the data-binding interfaces and binders; MemoryBlock, Variant,
  // Dictionary, VirtualVolume; TextInputStream, TextOutputStream, BinaryStream, ResourceFork,
  // Bitwise; Random, EndOfLine, _Keyboard, FolderItem, Permissions, TextEncoding,
  // TextConverter, _Encodings, Runtime, ObjectCursor, _Blowfish; the styled-text family,
  // RuntimeException and its subclasses; SpecialFolder, Network, OLEObject, OLEParameter; the
  // AppleEvent family, _Cursors, the Object2D family; QuitMenuItem, PrefsMenuItem,
  // AppleMenuItem; Clipboard, the FolderItemDialog family, MDIWindow, the menu classes, the
  // MessageDialog family; KeyChain (in the place of a "KCItem" that no class is), KeyChainItem,
  // DockItem, DragItem, Screen, Application, ToolItem, ToolButton.
  kStartupStartupClassesBegin = kStartupClassesBegin,
  kStartupNetworkInterfaceClass = kStartupStartupClassesBegin,
  kStartupQuicktimeInstallStatusClass,
  kStartupSystemClass,
  kStartupReadableInterface,
  kStartupWriteableInterface,
  kStartupPollableInterface,
  kStartupConsoleApplicationClass,
  kStartupStandardInputStreamClass,
  kStartupStandardOutputStreamClass,
  kStartupServiceApplicationClass,
  kStartupRegistryItemClass,
  kStartupThreadClass,
  kStartupSemaphoreClass,
  kStartupCriticalSectionClass,
  kStartupMutexClass,
  kStartupCollectionElementClass,
  kStartupCollectionClass,
  kStartupDateClass,
  kStartupDatabaseClasses,
  kStartupDataBindingInterfaces,
  kStartupMemoryBlockClass,
  kStartupVariantClass,
  kStartupDictionaryClass,
  kStartupVirtualVolumeClass,
  kStartupTextInputStreamClass,
  kStartupTextOutputStreamClass,
  kStartupBinaryStreamClass,
  kStartupResourceForkClass,
  kStartupBitwiseModule,
  kStartupRandomClass,
  kStartupEndOfLineClass,
  kStartupFolderItemClass,
  kStartupPermissionsClass,
  kStartupTextEncodingClass,
  kStartupTextConverterClass,
  kStartupEncodingsClass,
  kStartupRuntimeInspectionClass,
  kStartupObjectCursorClass,
  kStartupBlowfishClass,
  kStartupExceptionClasses,
  kStartupNetworkClass,
  kStartupAppleEventClasses,
  kStartupCursorsModule,
  kStartupObject2DClasses,
  kStartupKeyChainClasses,
  kStartupScreenClass,
  kStartupApplicationClass,

  // The control classes. Their full list: SocketCore, TCPSocket, UDPSocket, Datagram,
  // ServerSocket, Socket, IPCSocket, Object, Timer, Serial, SerialPort, DatabaseQuery,
  // RGBSurface, (Picture registers itself), Graphics, Control, RectControl,
  // listSelectionProvider, ListColumn, Listbox, OldListbox, Sys$ListboxAction,
  // listColumnValueProvider, Canvas, StaticText, ContextualMenu, ScrollBar, Slider, Window,
  // ContainerControl, EmbeddedWindowControl, GroupBox, Line, Oval, RoundRectangle, Rectangle,
  // EditField, PagePanel, OLEContainer, sys$popupRowTag, ProgressBar, _PaneChild,
  // PrinterSetup, Toolbar, MoviePlayer, MoviePlayerAction, PushButton, CheckBox, RadioButton,
  // PopupMenu, ComboBox, NotePlayer, Movie, Sound, StyledTextPrinter, TabPanel, MouseCursor,
  // DataControlAction, DataControl, TrayItem.
  kStartupControlClassesBegin,
  kStartupSocketCoreClass = kStartupControlClassesBegin,
  kStartupTCPSocketClass,
  kStartupUDPSocketClass,
  kStartupDatagramClass,
  kStartupServerSocketClass,
  kStartupSocketClass,
  kStartupIPCSocketClass,
  kStartupObjectClass,
  kStartupTimerClass,
  kStartupSerialClass,
  kStartupSerialPortClass,
  kStartupDatabaseQueryClass,
  kStartupPictureClass,
  kStartupGraphicsClass,
  kStartupControlClass,
  kStartupRectControlClass,
  kStartupWindowClass,
  kStartupGroupBoxClass,
  kStartupLineClass,
  kStartupOvalClass,
  kStartupRoundRectangleClass,
  kStartupRectangleClass,
  kStartupProgressBarClass,
  kStartupPaneChildInterface,
  kStartupPushButtonClass,
  kStartupMovieClass,
  kStartupSoundClass,
  kStartupMouseCursorClass,

  kStartupGlobalFunctionTable,
  // Loading the plug-ins the image carries: the plug-in loader declares its step here.
  kStartupImagePlugins,
  kStartupClassesEnd,
};
