Attribute VB_Name = "basStart"
Option Explicit

Public gsDatenPfad As String

Sub Main()
   gsDatenPfad = App.Path & "\Daten"
   frmHaupt.Show
End Sub

' Setzt ein Auswahlfeld zurück, gleich welcher Art.
Public Sub Zuruecksetzen(ByVal ctl As Control)
   Select Case TypeName(ctl)
   Case "CheckBox"
      ctl.Value = vbUnchecked
   Case "OptionButton"
      ctl.Value = False
   End Select
End Sub
