VERSION 5.00
Begin VB.Form frmKunde 
   BorderStyle     =   3  'Fester Dialog
   Caption         =   "Kunde bearbeiten"
   ClientHeight    =   3720
   ClientLeft      =   45
   ClientTop       =   330
   ClientWidth     =   5415
   LinkTopic       =   "Form1"
   MaxButton       =   0   'False
   MinButton       =   0   'False
   ScaleHeight     =   3720
   ScaleWidth      =   5415
   ShowInTaskbar   =   0   'False
   StartUpPosition =   1  'Fenstermitte
   Begin VB.CommandButton cmdAbbrechen 
      Cancel          =   -1  'True
      Caption         =   "Abbrechen"
      Height          =   375
      Left            =   4080
      TabIndex        =   9
      Top             =   3240
      Width           =   1215
   End
   Begin VB.CommandButton cmdOK 
      Caption         =   "OK"
      Default         =   -1  'True
      Height          =   375
      Left            =   2760
      TabIndex        =   8
      Top             =   3240
      Width           =   1215
   End
   Begin VB.Frame fraAnrede 
      Caption         =   "Anrede"
      BeginProperty Font 
         Name            =   "MS Sans Serif"
         Size            =   8.25
         Charset         =   0
         Weight          =   700
         Underline       =   0   'False
         Italic          =   0   'False
         Strikethrough   =   0   'False
      EndProperty
      Height          =   1215
      Left            =   120
      TabIndex        =   4
      Top             =   1800
      Width           =   5175
      Begin VB.OptionButton optAnrede 
         Caption         =   "Firma"
         Height          =   255
         Index           =   2
         Left            =   3480
         TabIndex        =   7
         Top             =   360
         Width           =   1455
      End
      Begin VB.OptionButton optAnrede 
         Caption         =   "Frau"
         Height          =   255
         Index           =   1
         Left            =   1800
         TabIndex        =   6
         Top             =   360
         Width           =   1455
      End
      Begin VB.OptionButton optAnrede 
         Caption         =   "Herr"
         BeginProperty Font 
            Name            =   "MS Sans Serif"
            Size            =   8.25
            Charset         =   0
            Weight          =   400
            Underline       =   0   'False
            Italic          =   0   'False
            Strikethrough   =   0   'False
         EndProperty
         Height          =   255
         Index           =   0
         Left            =   120
         TabIndex        =   5
         Top             =   360
         Value           =   -1  'True
         Width           =   1455
      End
   End
   Begin VB.TextBox txtOrt 
      Height          =   285
      Left            =   1320
      TabIndex        =   3
      Top             =   720
      Width           =   3975
   End
   Begin VB.TextBox txtName 
      Height          =   285
      Left            =   1320
      TabIndex        =   1
      Top             =   240
      Width           =   3975
   End
   Begin VB.Label lblOrt 
      Caption         =   "Straße/Ort:"
      Height          =   255
      Left            =   120
      TabIndex        =   2
      Top             =   750
      Width           =   1095
   End
   Begin VB.Label lblName 
      Caption         =   "Name:"
      Height          =   255
      Left            =   120
      TabIndex        =   0
      Top             =   270
      Width           =   1095
   End
End
Attribute VB_Name = "frmKunde"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

Private Sub cmdAbbrechen_Click()
   Unload Me
End Sub

Private Sub cmdOK_Click()
   If Len(txtName.Text) = 0 Then
      MsgBox "Bitte einen Namen eingeben.", vbExclamation
      Exit Sub
   End If
   Me.Hide
End Sub

Private Sub Form_Load()
   FelderLeeren
End Sub

' Leert die Eingabefelder und setzt die Anrede zurück.
Private Sub FelderLeeren()
   Dim ctl As Control
   For Each ctl In Me.Controls
      If TypeOf ctl Is TextBox Then
         ctl.Text = ""
      ElseIf TypeOf ctl Is OptionButton Then
         ctl.Value = False
      End If
   Next
End Sub
