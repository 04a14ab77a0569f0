VERSION 5.00
Begin VB.UserControl ctlAdresse 
   ClientHeight    =   2175
   ClientLeft      =   0
   ClientTop       =   0
   ClientWidth     =   4575
   ScaleHeight     =   2175
   ScaleWidth      =   4575
   Begin VB.Frame fraAnschrift 
      Caption         =   "Anschrift"
      BeginProperty Font 
         Name            =   "MS Sans Serif"
         Size            =   8.25
         Charset         =   0
         Weight          =   700
         Underline       =   0   'False
         Italic          =   0   'False
         Strikethrough   =   0   'False
      EndProperty
      Height          =   2055
      Left            =   60
      TabIndex        =   0
      Top             =   60
      Width           =   4455
      Begin VB.CheckBox chkPostfach 
         Caption         =   "Postfach statt Straﬂe"
         Height          =   255
         Left            =   1200
         TabIndex        =   5
         Top             =   1680
         Width           =   2895
      End
      Begin VB.TextBox txtOrt 
         Height          =   285
         Left            =   1200
         TabIndex        =   4
         Top             =   1200
         Width           =   3015
      End
      Begin VB.TextBox txtStrasse 
         Height          =   285
         Left            =   1200
         TabIndex        =   2
         Top             =   600
         Width           =   3015
      End
      Begin VB.Label lblOrt 
         Caption         =   "PLZ/Ort:"
         Height          =   255
         Left            =   120
         TabIndex        =   3
         Top             =   1230
         Width           =   975
      End
      Begin VB.Label lblStrasse 
         Caption         =   "Straﬂe:"
         Height          =   255
         Left            =   120
         TabIndex        =   1
         Top             =   630
         Width           =   975
      End
   End
End
Attribute VB_Name = "ctlAdresse"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = True
Attribute VB_PredeclaredId = False
Attribute VB_Exposed = False
Option Explicit

Public Property Get Strasse() As String
   Strasse = txtStrasse.Text
End Property

Public Property Get Ort() As String
   Ort = txtOrt.Text
End Property

Private Sub chkPostfach_Click()
   lblStrasse.Caption = IIf(chkPostfach.Value = vbChecked, "Postfach:", "Straﬂe:")
End Sub
