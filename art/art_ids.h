#pragma once
// Resource identifiers of the artwork (art/art.rc). Pictures are PNG files stored as
// RCDATA; each has a double-resolution twin at id + kArtHiDpiOffset for high DPI.
// Plain C macros: windres reads this file too.

#define IDI_APP 100         /* window icon: two keys and a yellow padlock */
#define IDC_POINTING_HAND 110 /* mouse pointer of the link labels */

#define IDP_BACKGROUND 201     /* plain light blue-grey, stretched to the form's picture size */
#define IDP_BANNER 202         /* 482 x 80: blue gradient band, USB stick and padlock at the left */
#define IDP_BANNER_WIDE 203    /* 648 x 80: the same band, wider */
#define IDP_STICK_PADLOCK 210  /* 56 x 53: USB stick with a padlock */
#define IDP_STICK_NOENTRY 211  /* 56 x 55: USB stick with a red prohibition sign */
#define IDP_STICK_CHECK 212    /* 55 x 53: USB stick with a green check mark */
#define IDP_STICK_PLAIN 213    /* 55 x 53: plain USB stick */
#define IDP_INFO 214           /* 21 x 39: green letter i */
#define IDP_DISC_TICK 220      /* 29 x 29: white check mark on a green disc */
#define IDP_DISC_CROSS 221     /* 30 x 30: white cross on a red disc */
#define IDP_DISC_BAR 222       /* 30 x 29: white bar on a red disc */
#define IDP_DISC_QUESTION 225  /* 30 x 30: white question mark on an amber disc */
#define IDP_CHECK22 223        /* 22 x 22: green check mark (button picture) */
#define IDP_KEYS32 224         /* 32 x 32: a ring of keys */
#define IDP_HELP_RUNAS 230     /* 321 x 137: the program's icon on a desktop, context menu open */

#define ART_HIDPI_OFFSET 1000
