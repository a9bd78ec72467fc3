VERSION 5.00
Begin VB.Form Form1 
   Caption         =   "Menus"
   Begin VB.Menu mnuFile 
      Caption         =   "&File"
      Begin VB.Menu mnuLoadTop 
         Caption         =   "Load"
         Begin VB.Menu mnuLoadFile 
            Caption         =   "Pdf File"
         End
      End
      Begin VB.Menu mnuRecent 
         Caption         =   "-"
         Index           =   0
      End
      Begin VB.Menu mnuRecent 
         Caption         =   "-"
         Index           =   1
      End
   End
End
Attribute VB_Name = "Form1"
