#include "toolkit/application.h"
#include "window/form1.h"

int main(int argc, char* argv[]) {
  toolkit::Application app(argc, argv, "bLaRgO v1.01");
  Form1 form;
  form.Show();
  return app.Run();
}
