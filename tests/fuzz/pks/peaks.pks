There were 5 peaks in the spectrum
Peak list of a calibration mixture

   m/z         intensity   point   frequency (Hz)
------------------------------------------------
 
   524.2648    1.52e+06    11021   205117.6
   622.0290    8.10e+05     9289   172869.1
   922.0098    6.43e+05     6267   116622.3
  1221.9906    2.97e+05     4729    87995.8
  1521.9715    1.12e+05     3797    70650.2
