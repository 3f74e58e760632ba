// Resource ids shared by the resource script and the code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_SORVENNA_DIALOG 102
#define IDR_MAINFRAME 128
