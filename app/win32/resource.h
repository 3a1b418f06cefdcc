#pragma once
#define IDI_APP 1
#define IDB_IMAGE2 101
