// Modal loops: a message box, a modal window, a toolkit dialog. Each runs passes of the main
// loop until it is answered (on a language thread it yields, and the main thread runs the
// passes), and each also ends as soon as the program quits or the thread it runs on has been
// killed. A killed thread must unwind out of the loop: its ThreadEndException is raised at
// its yields and taken when the framework call that runs the loop returns to compiled code;
// Kill, and Quit (which kills every language thread before it ends the program), wait for
// that.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

// True once the modal loop running on this thread must end.
bool ModalLoopMustEnd();

// Shows a toolkit dialog modally and runs passes until it answers: its response id, or
// GTK_RESPONSE_NONE when the loop had to end (ModalLoopMustEnd) or the dialog went away. The
// dialog is left to the caller, who reads what was chosen and destroys it.
int32_t RunDialogModally(GtkDialog* dialog);
