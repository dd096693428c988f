/* What any GTK program does before its own code runs: start the toolkit, then end. */
#include <gtk/gtk.h>

int main(int argc, char** argv) {
  gtk_init_check(&argc, &argv);
  return 0;
}
