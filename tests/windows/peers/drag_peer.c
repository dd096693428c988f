/* Another program for the drop tests: a GTK 2 window titled argv[1], placed at (argv[2],
 * argv[3]), whose whole area is a drag source offering a URI list and text, with copy and move.
 * Prints "ready" once shown, "begin" when a drag starts and "accepted" the first time a target
 * answers that it takes the drag, which a test waits for before it releases the button. */
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* kURIs = "file:///tmp/drop%20peer/with%20space.txt\r\n"
                           "file://localhost/tmp/drop%20peer/other.txt\r\n";
static const char* kText = "peer text";

static void GiveData(GtkWidget* widget, GdkDragContext* context, GtkSelectionData* data,
                     guint info, guint time, gpointer unused) {
  (void)widget, (void)context, (void)time, (void)unused;
  const char* bytes = info == 0 ? kURIs : kText;
  gtk_selection_data_set(data, data->target, 8, (const guchar*)bytes, (gint)strlen(bytes));
}

static gboolean Shown(GtkWidget* widget, GdkEvent* event, gpointer unused) {
  (void)widget, (void)event, (void)unused;
  printf("ready\n");
  fflush(stdout);
  return FALSE;
}

/* The target's answers reach the drag's context without a signal of their own. */
static gboolean WatchAnswer(gpointer data) {
  GdkDragContext* context = data;
  if (context->action == 0) return TRUE;
  printf("accepted\n");
  fflush(stdout);
  return FALSE;
}

static void Began(GtkWidget* widget, GdkDragContext* context, gpointer unused) {
  (void)widget, (void)unused;
  printf("begin\n");
  fflush(stdout);
  g_timeout_add_full(G_PRIORITY_DEFAULT, 10, WatchAnswer, g_object_ref(context), g_object_unref);
}

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), argc > 1 ? argv[1] : "drag peer");
  gtk_window_set_default_size(GTK_WINDOW(window), 200, 150);
  if (argc > 3) gtk_window_move(GTK_WINDOW(window), atoi(argv[2]), atoi(argv[3]));
  GtkWidget* source = gtk_event_box_new();
  gtk_container_add(GTK_CONTAINER(window), source);
  static GtkTargetEntry targets[] = {{(gchar*)"text/uri-list", 0, 0},
                                     {(gchar*)"text/plain", 0, 1}};
  gtk_drag_source_set(source, GDK_BUTTON1_MASK, targets, 2, GDK_ACTION_COPY | GDK_ACTION_MOVE);
  g_signal_connect(source, "drag-data-get", G_CALLBACK(GiveData), NULL);
  g_signal_connect(source, "drag-begin", G_CALLBACK(Began), NULL);
  g_signal_connect(window, "map-event", G_CALLBACK(Shown), NULL);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
