// Identifiers of the program's resources and of the controls of its dialog templates, by name.
// The numbers are the ones the templates in this folder carry; code and tests use the names.
#pragma once

// Dialog templates (the files dialog100.rc and dialog102.rc)
#define IDD_ABOUTBOX 100
#define IDD_CORVEXCONTROL_DIALOG 102

// String table
#define IDS_ABOUTBOX 101

// Icon
#define IDR_MAINFRAME 128

// The About entry of the system menu; the platform may set any of its four low bits.
#define ID_SYSCMD_ABOUT 0x0010

// The platform's standard buttons
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

// About box
#define IDC_UPDATES_LINK 1000

// Main dialog
#define IDC_RESET_ALARMS 1005
#define IDC_MUTE 1006
#define IDC_CONNECT 1008
#define IDC_ABOUT 1010
#define IDC_GAIN_REDUCTION_BAR 1018
#define IDC_RF_FAIL_LED 1019
#define IDC_MOD_FAIL_LED 1020
#define IDC_PLL_FAIL_LED 1021
#define IDC_FREQUENCY_COUNTER 1022
#define IDC_REFLECTED_POWER 1024
#define IDC_FORWARD_POWER 1025
#define IDC_TEMPERATURE_BAR 1027
#define IDC_PLL_LOCK_LED 1028
#define IDC_PA_VOLTAGE_BAR 1029
#define IDC_AUX_VOLTAGE_BAR 1030
#define IDC_GAIN_REDUCTION 1034
#define IDC_DEVIATION_LOW_BAR 1058
#define IDC_DEVIATION_HIGH_BAR 1059
#define IDC_DEVIATION 1060
#define IDC_POWER_UP 1061
#define IDC_POWER_DOWN 1062
#define IDC_FREQUENCY_UP 1063
#define IDC_FREQUENCY_DOWN 1064
#define IDC_PORT 1066
#define IDC_PORT_SPIN 1067
#define IDC_CONNECTION_GROUP 1069
#define IDC_AUDIO_GROUP 1070
#define IDC_FREQUENCY_GROUP 1071
#define IDC_PLL_LOCK_LABEL 1072
#define IDC_AUX_LABEL 1073
#define IDC_PLL_FAIL_LABEL 1074
#define IDC_MOD_FAIL_LABEL 1075
#define IDC_DEVIATION_SCALE_100 1076
#define IDC_DEVIATION_SCALE_75 1077
#define IDC_DEVIATION_SCALE_50 1078
#define IDC_DEVIATION_SCALE_25 1079
#define IDC_DEVIATION_SCALE_0 1080
#define IDC_DEVIATION_LABEL 1081
#define IDC_GAIN_REDUCTION_LABEL 1082
#define IDC_GAIN_REDUCTION_SCALE_0 1083
#define IDC_GAIN_REDUCTION_SCALE_6 1084
#define IDC_GAIN_REDUCTION_SCALE_12 1085
#define IDC_GAIN_REDUCTION_SCALE_18 1086
#define IDC_GAIN_REDUCTION_SCALE_24 1087
