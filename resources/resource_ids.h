#pragma once
/* Resource ids shared by the program and tessaline.rc. Plain C so that the resource
   compiler can read it. */
#define IDI_APP 1
#define IDC_HANDLINK 101
