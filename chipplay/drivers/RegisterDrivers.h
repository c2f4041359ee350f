// The program's music drivers by name: each machine's driver and the
// compatible variant built on it, registered with the DriverBinder here, in
// one place above them (a machine's driver knows nothing of its variants).
//
//   RegisterPC88Drivers();   // "pc88/opn", "pc88/opna" and their "/compat"
//   RegisterX1Drivers();     // "x1/psg", "x1/opm" and their "/compat"
//   vm->load(config, archive);
//
// Each is called once at program start (again, it registers the same
// factories again); true when every name was registered.
#pragma once

bool RegisterPC88Drivers();
bool RegisterX1Drivers();
