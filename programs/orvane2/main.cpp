#include "platform/runtime/runtime.h"
#include "shell/frm_orvane.h"

int main() { runtime::Start(FrmOrvane, Form_Load); }
