VERSION 5.00
Begin VB.Form frmUser 
   Begin MSComctlLib.ProgressBar pbLoad 
      Top             =   600
      Width           =   2000
      _ExtentX        =   3528
      _ExtentY        =   450
      Caption         =   "Load"
      ToolTipText     =   "Old tip"
   End
   Begin VB.Frame fraA 
      Caption         =   "A"
      Begin VB.TextBox txtA 
         Text            =   "a"
      End
   End
End
Attribute VB_Name = "frmUser"
