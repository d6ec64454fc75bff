// Identifiers of the dialog template that only the tests use.
#pragma once
#define IDD_TEST_DIALOG 9000
#define IDC_TEST_CHECK 9001
#define IDC_TEST_EDIT 9002
#define IDC_TEST_BUTTON 9003
#define IDC_TEST_TREE 9004
